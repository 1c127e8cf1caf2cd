#include "window/control_table.h"

namespace qatutor {

using enum ControlKind;

const std::array<ControlPlace, 29> controlTable = {{
    {"txt_question", multiLineTextBox, "", 240, 720, 5175, 3255, "Question and answer text"},
    {"txt_answer", multiLineTextBox, " ", 5640, 720, 5055, 3255, "Your response"},
    {"cmdNextQuestion", commandButton, "Next Question / Answer", 240, 0, 975, 735,
     "Show the next question or answer"},
    {"cmd_enter_response", commandButton, "Enter Response", 5640, 240, 855, 495,
     "Record your response"},
    {"Picture1", pictureBox, "", 240, 4080, 5175, 3375, "Picture 1"},
    {"Picture2", pictureBox, "", 5640, 4080, 5055, 3375, "Picture 2"},
    {"cmd_save_as_notes", commandButton, "Save as Notes", 6480, 240, 855, 495,
     "Save your text as notes"},
    {"cmd_Make_paragraph", commandButton, "Make Paragraph", 7320, 240, 975, 495,
     "Make paragraph (answer)"},
    {"cmd_Make_Paragraph_question", commandButton, "Make Paragraph", 1200, 240, 855, 495,
     "Make paragraph (question)"},
    {"txt_paragraph_goback", textBox, "1", 3120, 240, 150, 285, "Sentences to go back"},
    {"lbl_paragraph_goback", label, "# sentences previous", 2880, 360, 135, 135,
     "Number of sentences previous"},
    {"cmd_timerTrigger", commandButton, "Trigger Timer", 2400, 7560, 735, 495, "Trigger timer"},
    {"List1", listBox, "", 3120, 7680, 1695, 840, "List not used by this course"},
    {"lbl_parameter_0", label, "Parameter 1", 5640, 7680, 900, 195, "Parameter 1 label"},
    {"txt_parameter_0", textBox, "1", 6720, 7680, 300, 285, "Parameter 1"},
    {"lbl_parameter_1", label, "Parameter 2", 5640, 8160, 855, 195, "Parameter 2 label"},
    {"txt_parameter_1", textBox, "1", 6720, 8160, 300, 285, "Parameter 2"},
    {"lbl_parameter_2", label, "Parameter 3", 7200, 7680, 1005, 195, "Parameter 3 label"},
    {"txt_parameter_2", textBox, "1", 8205, 7680, 300, 285, "Parameter 3"},
    {"lbl_parameter_3", label, "Parameter 4", 7200, 8160, 900, 195, "Parameter 4 label"},
    {"txt_parameter_3", textBox, "1", 8205, 8160, 300, 285, "Parameter 4"},
    {"cmd_displayCumulativeText", commandButton, "display SEND file", 4440, 240, 855, 495,
     "Show the send file"},
    {"cmd_display_note_file", commandButton, "display notes", 3360, 360, 135, 195,
     "Show the notes file"},
    {"cmd_quit", commandButton, "quit program", 10200, 0, 735, 495, "Quit the program"},
    {"cmd_pend_exp", commandButton, "pend exp", 8640, 7560, 495, 375, "Start the circle timer"},
    {"cmd_next_picture", commandButton, "next picture", 1200, 7560, 855, 495,
     "Run the next picture routine"},
    {"lbl_only_if_prompted", label, "click only if prompted", 240, 7560, 855, 495,
     "Click only if prompted"},
    {"cmd_copy_picture", commandButton, "copy picture", 1200, 8160, 855, 495,
     "Copy picture 1 to picture 2"},
    {"cmd_clear_answer_box", commandButton, "clear box", 8280, 240, 855, 495,
     "Clear the answer box"},
}};

}  // namespace qatutor
